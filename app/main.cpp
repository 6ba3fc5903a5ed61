// The entry point hands over to the run time, which does everything else.
#include "platform/startup.h"

int main() { return kivora::ThunRTMain(); }

// The start routine each back end provides: creates FrmMain from its stored
// definition, raises its load event, shows it unless the program has ended,
// then runs the event loop until the end. Returns the process exit status.
#pragma once

namespace kivora {

int ThunRTMain();

}  // namespace kivora

/* A program that carries its payload in its own file, as single-file
   installers do: it reads the end of /proc/self/exe for a line
   "PAYLOAD:<program>" appended after it was linked, and runs that program
   with its own arguments. Started through the dynamic loader,
   /proc/self/exe names the loader, the payload is not found, and it ends
   with status 3. */
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv) {
  (void)argc;
  char tail[4096];
  FILE* self = fopen("/proc/self/exe", "rb");
  if (!self || fseek(self, -(long)sizeof tail, SEEK_END) != 0) return 3;
  size_t n = fread(tail, 1, sizeof tail - 1, self);
  fclose(self);
  tail[n] = '\0';
  char* payload = NULL;
  for (size_t i = 0; i + 8 <= n; ++i)
    if (memcmp(tail + i, "PAYLOAD:", 8) == 0) payload = tail + i + 8;
  if (!payload) return 3;
  payload[strcspn(payload, "\n")] = '\0';
  argv[0] = payload;
  execv(payload, argv);
  return 4;
}

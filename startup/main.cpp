#include "platform/host.h"
#include "startup/startup.h"

// The program reads no command line: nothing of argv goes anywhere.
int main() {
  SetPlatformHost(MakeDesktopHost());
  StartUp();
  return 0;
}

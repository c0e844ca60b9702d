// Runs a command on a display of its own, for the scripts that drive the whole program: no other
// test's windows, pointer grabs or presses reach its windows, so such scripts run side by side.
//   tw_with_display <command> [argument...]
// Ends with the command's status; the display and the command end with this program.
#include "support/PrivateDisplay.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <command> [argument...]\n", argv[0]);
        return 2;
    }
    unsetenv("WAYLAND_DISPLAY");
    PrivateDisplay display;
    if (!display.started()) {
        std::fprintf(stderr, "No display of the test's own: %s\n", display.failure().c_str());
        // Without Xvfb the test skips (ctest takes 77 for that), unless the run promised a display.
        const char* ci = std::getenv("CI");
        return !xvfbInstalled() && !(ci && std::strcmp(ci, "true") == 0) ? 77 : 1;
    }
    setenv("DISPLAY", display.name().c_str(), 1);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        return 1;
    }
    if (child == 0) {
        // A time limit that kills this program ends the command too, not only its display.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        execvp(argv[1], argv + 1);
        std::perror(argv[1]);
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return 1;
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

// Keeps a secret in the Secret Service of the session bus in DBUS_SESSION_BUS_ADDRESS, as the
// program keeps its sign-ins, for the whole-program tests. A process of its own: libsecret holds on
// to the first bus it met, and each test suite has a bus of its own.
//   tw_store_secret <account> <secret>
#include "platform/Error.h"
#include "platform/TokenStore.h"

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: tw_store_secret <account> <secret>\n");
        return 2;
    }
    Error error;
    if (SecretServiceTokenStore().write(argv[1], argv[2], &error)) return 0;
    std::printf("%s %s\n", error.localizedDescription.c_str(), error.failureReason.c_str());
    return 1;
}

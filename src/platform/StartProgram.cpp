#include "platform/StartProgram.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/AppFolder.h"

extern char** environ;

namespace kel {

bool StartProgram(const std::string& program, std::string& error, const std::string& folder)
{
    if (program.empty() || program.find('/') != std::string::npos) {
        error = "not a program name: '" + program + "'";
        return false;
    }
    const std::string dir = folder.empty() ? ApplicationFolder() : WithTrailingSlash(folder);
    const std::string path = dir + program;
    if (::access(path.c_str(), X_OK) != 0) {
        error = path + " cannot be started: " + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // The child gets default signal dispositions and a mask of its own, not
    // whatever the GUI or a receive thread had blocked.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::string arg0 = program;
    char* argv[] = {arg0.data(), nullptr};
    pid_t pid = -1;
    const int e = posix_spawn(&pid, path.c_str(), &actions, &attr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (e != 0) {
        error = path + " cannot be started: " + std::strerror(e);
        return false;
    }
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    error.clear();
    return true;
}

} // namespace kel

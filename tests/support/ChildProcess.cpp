#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>

extern char** environ;

pid_t SpawnChild(
    const std::string& program, const std::vector<std::string>& args, const TChildFiles& files)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!files.folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, files.folder.c_str());
    const int mode = O_WRONLY | O_CREAT | (files.append ? O_APPEND : O_TRUNC);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, files.output.c_str(), mode, 0600);
    if (files.errors.empty())
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, files.errors.c_str(), mode, 0600);
    std::vector<char*> argv { const_cast<char*>(program.c_str()) };
    for (const auto& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::runtime_error("cannot start " + program);
    return pid;
}

#pragma once
// Runs the real aaxhost executable and captures what it prints.

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace hosttest {

struct ToolRun
{
  int exitCode = -1; // -1 when a signal ended it
  int signal = 0;    // the signal that ended it
  std::string output; // stdout and stderr together
};

// Runs a shell command and captures what it prints (a command that execs the tool gives the
// tool's own status).
inline ToolRun RunCommand(const std::string& command)
{
  ToolRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe)
    return run;
  char buffer[4096];
  size_t got = 0;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
    run.output.append(buffer, got);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return run;
}

// args are appended to the executable's path as they are (callers quote what needs it);
// environment settings ("NAME=value ...") go before it.
inline ToolRun RunAaxhost(const std::string& args, const std::string& environment = "")
{
  return RunCommand((environment.empty() ? "" : "env " + environment + " ") + "'" + AAXHOST_EXE + "' " + args +
                    " 2>&1");
}

// The same with a terminal for its output (through script(1)); args must not hold '"'.
inline ToolRun RunAaxhostOnTerminal(const std::string& args)
{
  return RunCommand("script -qec \"'" + std::string(AAXHOST_EXE) + "' " + args + "\" /dev/null");
}

inline std::string Quoted(const std::string& path) { return "'" + path + "'"; }

} // namespace hosttest

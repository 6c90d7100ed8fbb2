// Windows programs under wine, driven from a native Linux test: one throwaway prefix per test
// program, its COM ports linked to devices the test chooses, and programs run in it with
// their standard streams in the test's hands.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace corvantis::testing {

// What a finished program left.
struct WineResult {
    int exitCode = -1;  // the program's exit status; -1 when it had to be killed
    std::string out;    // standard output
    std::string err;    // standard error
};

class WineProcess;

// `text` with each "\r\n" (the line end of a Windows program's text streams) made "\n".
std::string UnixLines(const std::string& text);

// A temporary wine prefix made, started, run in and removed by cmake/wine-prefix.sh (its
// steps boot, restart, run, link, unlink and clean): its own HOME, a wineserver kept up for
// the prefix's life, unmanaged windows (so a hide or close on a virtual X server without a
// window manager does not wait), the same environment for every program. The destructor
// ends the prefix's wineserver and removes every file. The test's environment is read at
// each step, so a CORVANTIS_WINE_DISPLAY=1 set later keeps DISPLAY for the programs started
// from then on.
class WinePrefix {
public:
    WinePrefix();
    ~WinePrefix();
    WinePrefix(const WinePrefix&) = delete;
    WinePrefix& operator=(const WinePrefix&) = delete;

    // One prefix for the whole test program, made at the first call (about 20 s) and
    // removed when the program ends.
    static WinePrefix& Shared();

    // The prefix folder and a scratch folder beside it that the test may fill.
    const std::string& Prefix() const { return m_prefix; }
    const std::string& Scratch() const { return m_scratch; }

    // Ends every program of the prefix and starts its wineserver and system programs again,
    // as a reboot does (services with automatic start start). Right after `wineboot --init`
    // a prefix may run two service managers on one pipe, each with a registry of its own
    // making; after a restart it runs one.
    void Restart();

    // Links "COMn" of the prefix to the Unix device `device` (a pseudo-terminal's follower
    // end), replacing an earlier link; wine looks at the link at each open.
    void LinkComPort(int n, const std::string& device);
    void UnlinkComPort(int n);

    // The Windows path of a Unix path inside the prefix's view (drive Z:).
    static std::string WindowsPath(const std::string& unixPath);

    // Starts `program` (a Unix path of a Windows executable) with `arguments`; `environment`
    // entries are added to (or replace) the prefix's own.
    std::unique_ptr<WineProcess> Start(const std::string& program,
                                       const std::vector<std::string>& arguments,
                                       const std::map<std::string, std::string>& environment = {});

    // Runs `program` to its end (killed after `timeout`), with `input` as standard input.
    WineResult Run(const std::string& program, const std::vector<std::string>& arguments,
                   std::chrono::milliseconds timeout = std::chrono::seconds(60),
                   const std::string& input = {},
                   const std::map<std::string, std::string>& environment = {});

private:
    // Runs the step `arguments` (its name first, then what follows ROOT) of the prefix's
    // script to its end, its output discarded; returns its exit status.
    int Step(const std::vector<std::string>& arguments);
    // The test's own environment now.
    static std::map<std::string, std::string> Environment();

    std::string m_root;
    std::string m_prefix;
    std::string m_scratch;
};

// A running program with pipes on its standard streams. Reads never block: output is
// gathered as it comes while the test waits. The destructor kills a program still running.
class WineProcess {
public:
    WineProcess(pid_t pid, int in, int out, int err);
    ~WineProcess();
    WineProcess(const WineProcess&) = delete;
    WineProcess& operator=(const WineProcess&) = delete;

    pid_t Pid() const { return m_pid; }

    // Writes to the program's standard input; false when it no longer reads it.
    bool Write(const std::string& bytes);
    void CloseInput();

    // Gathers output for up to `span`, returning early once `needle` has appeared in
    // standard output (or standard error when `inErr`); true when it has.
    bool WaitFor(const std::string& needle, std::chrono::milliseconds span, bool inErr = false);
    // Gathers whatever output is there now.
    void Gather();
    const std::string& Out() const { return m_outText; }
    const std::string& Err() const { return m_err; }

    // Waits up to `span` for the program to end; its exit status, or -1 when still running.
    int Wait(std::chrono::milliseconds span);
    // Kills the program (SIGKILL) and reaps it.
    void Kill();
    bool Running() const { return m_pid > 0; }

    // CPU time (user and system) the process has used so far, from /proc.
    std::chrono::milliseconds CpuTime() const;
    // Its resident memory now, in kilobytes, from /proc.
    long ResidentKb() const;

private:
    pid_t m_pid;
    int m_in;
    int m_out;
    int m_errFd;
    std::string m_outText;
    std::string m_err;
    int m_status = -1;
};

}  // namespace corvantis::testing

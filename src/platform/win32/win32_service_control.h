// corvantis.exe as a Windows service: registering and removing it with the service manager,
// the settings folder it owns, and finding the service that owns a folder.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvantis {

// What an install or removal did, for the command line: the exit status (0 done, 1 failed,
// kExitNeedsAdministrator refused) and the lines to print.
struct ServiceOutcome {
    int exitCode = 0;
    std::string message;
};

// The exit status of --install-service and --uninstall-service without administrator rights.
inline constexpr int kExitNeedsAdministrator = 4;

// Whether this process runs with the Administrators group enabled in its token (elevated).
bool RunningAsAdministrator();

// The settings folder of service `name` when none is given: %ProgramData%\Corvantis\NAME.
std::string DefaultServiceFolder(const std::string& name);

// `path` made absolute against the current folder, without a trailing separator.
std::string FullPath(const std::string& path);

// Whether `name` can name a service: 1 to 80 characters, none of them a slash, a backslash,
// a quote or a control character.
bool ValidServiceName(const std::string& name);

// Creates `folder` and its missing parents and gives the folder the service's access: full
// control to the local system account (the service's own) and to administrators, reading to
// users, nothing inherited from above; the files in it inherit the same. Raises Failure.
void PrepareServiceFolder(const std::string& folder);

// The folder's access as SDDL text (owner left out), or empty text when it cannot be read.
std::string FolderAccessText(const std::string& folder);

// Registers service `name` running `program` (a full path) with --service NAME
// --settings-dir FOLDER: own process, local system account, automatic start, restarted 5 s
// after a failure (a crash or a stop with an error), a description, and the event source.
// The settings folder is made (PrepareServiceFolder). Changes nothing without administrator
// rights, and nothing when a service of that name exists.
ServiceOutcome InstallService(const std::string& name, const std::string& program,
                              const std::string& settingsFolder);

// Stops service `name` (waiting up to kStopWait for it) and removes it; the event source goes
// with the last Corvantis service. The settings folder stays. Refuses a service that does not
// run corvantis.exe --service, and changes nothing without administrator rights.
ServiceOutcome UninstallService(const std::string& name);

// A Corvantis service and what the service manager says of it.
struct InstalledService {
    std::string name;
    std::string settingsFolder;  // full path
    std::string state;           // "running", "stopped", "starting", "stopping", "paused"
    bool active = false;         // anything but stopped: it holds (or is about to) the port
};

// The services registered to run "corvantis.exe --service", in the manager's order. Empty
// when the manager cannot be asked.
std::vector<InstalledService> CorvantisServices();

// The service whose settings folder is `settingsFolder` (compared as Windows compares
// paths), if any.
std::optional<InstalledService> ServiceOwningFolder(const std::string& settingsFolder);

// The settings folder a service's command line names: --settings-dir DIR, else the default
// folder of the name after --service. Nothing when the command line is not "corvantis.exe
// --service NAME ...".
std::optional<InstalledService> ReadServiceCommand(const std::string& name,
                                                   const std::wstring& command);

}  // namespace corvantis

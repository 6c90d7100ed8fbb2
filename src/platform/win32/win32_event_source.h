// The program's own event source in the Windows Event Log: "Corvantis" in the Application log,
// its messages read from the message table inside corvantis.exe (so Event Viewer shows the
// program's words with the texts it passes).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvantis {

// The source's name, as Event Viewer shows it.
inline constexpr char kEventSourceName[] = "Corvantis";

// Registers the source (HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Corvantis)
// with `messageModule`, the full path of the executable carrying the message table, as its
// EventMessageFile, and information, warning and error as its types. Replaces an earlier
// registration. Raises Failure (the Win32 error) when the key cannot be written: that needs
// administrator rights.
void RegisterEventSourceFor(const std::string& messageModule);

// Removes the source's key; a source not registered is no failure. Raises Failure otherwise.
void RemoveEventSource();

// The EventMessageFile of the registered source, nothing when the source is not registered.
std::optional<std::string> RegisteredEventMessageFile();

// The text of message `messageId` in the table of `module` (loaded as data), with `inserts`
// for %1, %2...; nothing when the module or the message cannot be found. Line ends as
// FormatMessageW leaves them.
std::optional<std::wstring> EventMessageText(const std::string& module, unsigned long messageId,
                                             const std::vector<std::string>& inserts);

// Writes entries under the source. Entries are written as they come, from the calling
// thread; ReportEventW hands them to the log service and does not wait for Event Viewer. A
// source that cannot be opened makes every Write do nothing: the log is for administrators
// and never stops the program.
class Win32EventLogWriter {
public:
    Win32EventLogWriter();
    ~Win32EventLogWriter();
    Win32EventLogWriter(const Win32EventLogWriter&) = delete;
    Win32EventLogWriter& operator=(const Win32EventLogWriter&) = delete;

    // One entry with message `messageId` of the table; its severity bits (the top two) give
    // the entry's type: error, warning or information. `inserts` are its %1, %2...
    void Write(unsigned long messageId, const std::vector<std::string>& inserts);

private:
    void* m_handle = nullptr;
};

}  // namespace corvantis

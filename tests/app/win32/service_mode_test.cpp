// The Windows service's parts under wine: the event source and the message table inside
// corvantis.exe, the reading of a service's command line, and the settings folder's access.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "app/win32/service_mode.h"
#include "platform/win32/win32_event_source.h"
#include "platform/win32/win32_service_control.h"
#include "support/temp_dir.h"

namespace corvantis {
namespace {

// corvantis.exe of this build, as wine names it.
std::string ProgramPath() {
    std::string path = "Z:" + std::string(CORVANTIS_EXE);
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

const SystemEvent kAllEvents[] = {SystemEvent::ServiceStarted, SystemEvent::ServiceStopped,
                                  SystemEvent::ServiceFailed,  SystemEvent::SendingStopped,
                                  SystemEvent::SendingResumed, SystemEvent::PortLost,
                                  SystemEvent::PortBack,       SystemEvent::SettingRefused,
                                  SystemEvent::RulesDiffer,    SystemEvent::ClockNotSynchronised,
                                  SystemEvent::Fault,          SystemEvent::Warning};

// The source registered by the installers leads Event Viewer to the program's own words: each
// event's message loads from the registered file, with the texts passed put in, and its
// entry type (the ID's severity bits) is the event's severity.
TEST(EventSource, RegisteredSourceLoadsEveryMessageOfTheProgram) {
    RegisterEventSourceFor(ProgramPath());
    const auto file = RegisteredEventMessageFile();
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(*file, ProgramPath());
    std::set<std::wstring> texts;
    for (const SystemEvent event : kAllEvents) {
        const unsigned long id = EventMessageId(event);
        const unsigned long severity = id >> 30;  // 1 information, 2 warning, 3 error
        const unsigned long expected = SeverityOf(event) == EventSeverity::Error     ? 3
                                       : SeverityOf(event) == EventSeverity::Warning ? 2
                                                                                     : 1;
        EXPECT_EQ(severity, expected) << "event ID " << std::hex << id;
        const auto text = EventMessageText(*file, id, {"first-insert", "second-insert"});
        ASSERT_TRUE(text.has_value()) << "no message " << std::hex << id;
        EXPECT_NE(text->find(L"first-insert"), std::wstring::npos);
        EXPECT_EQ(text->find(L"%1"), std::wstring::npos);
        texts.insert(*text);
    }
    EXPECT_EQ(texts.size(), std::size(kAllEvents)) << "two events share one message";
    const auto rules =
        EventMessageText(*file, EventMessageId(SystemEvent::RulesDiffer), {"Clocks will show"});
    ASSERT_TRUE(rules.has_value());
    EXPECT_EQ(rules->rfind(L"The clocks' display rules do not match this PC's time zone.", 0), 0u);

    RemoveEventSource();
    EXPECT_FALSE(RegisteredEventMessageFile().has_value());
    EXPECT_NO_THROW(RemoveEventSource()) << "removing an absent source is no failure";
}

TEST(ServiceCommand, NamesTheServicesSettingsFolder) {
    struct Row {
        const wchar_t* command;
        bool ours;
        std::string folder;  // when ours; empty: the default folder of "hall"
    };
    const Row rows[] = {
        {LR"("C:\Program Files\Corvantis\corvantis.exe" --service "hall" --settings-dir "D:\Clocks\Hall")",
         true, "D:\\Clocks\\Hall"},
        // The installer's form: no folder given, the default one.
        {LR"("C:\Program Files\Corvantis\CORVANTIS.EXE" --service hall)", true, ""},
        {LR"(C:\Corvantis\corvantis.exe --settings-dir D:\Clocks\ --service hall)", true,
         "D:\\Clocks"},
        // Not a service run, or not this program: not one of ours.
        {LR"("C:\Program Files\Corvantis\corvantis.exe" --headless)", false, ""},
        {LR"("C:\Other\other.exe" --service hall)", false, ""},
        {LR"("C:\Other\notcorvantis.exe.bak" --service hall)", false, ""},
        {L"", false, ""},
    };
    for (const Row& row : rows) {
        const auto found = ReadServiceCommand("hall", row.command);
        ASSERT_EQ(found.has_value(), row.ours)
            << std::string(row.command, row.command + wcslen(row.command));
        if (found) {
            EXPECT_EQ(found->name, "hall");
            EXPECT_EQ(found->settingsFolder,
                      row.folder.empty() ? DefaultServiceFolder("hall") : row.folder);
        }
    }
    EXPECT_EQ(DefaultServiceFolder("hall"), "C:\\ProgramData\\Corvantis\\hall");
}

TEST(ServiceName, OnlyNamesTheServiceManagerAndACommandLineTake) {
    const std::pair<std::string, bool> rows[] = {
        {"hall", true},
        {"Corvantis", true},
        {"clocks east wing", true},
        {"", false},
        {"a/b", false},
        {"a\\b", false},
        {"say \"hi\"", false},
        {"tab\there", false},
        {std::string(80, 'x'), true},
        {std::string(81, 'x'), false},
    };
    for (const auto& [name, valid] : rows) {
        EXPECT_EQ(ValidServiceName(name), valid) << name;
    }
}

// Administrators and the service (the local system account) may write, nobody else; Windows
// keeps the access as given (protected, users reading), wine keeps what the Unix mode can
// hold (the owner, an administrator, and the system; nobody else).
TEST(ServiceFolder, IsWritableOnlyByAdministratorsAndTheService) {
    testing::TempDir temp;
    const std::string folder = temp.Path() + "\\ProgramData\\Corvantis\\hall";
    PrepareServiceFolder(folder);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    const std::string access = FolderAccessText(folder);
    ASSERT_FALSE(access.empty());
    EXPECT_NE(access.find("(A;OICI;FA;;;SY)"), std::string::npos) << access;
    for (const char* others : {";;;WD)", ";;;BU)", ";;;AU)"}) {
        const auto at = access.find(others);
        if (at != std::string::npos) {
            const std::string ace = access.substr(access.rfind('(', at));
            EXPECT_NE(ace.find("0x1200a9"), std::string::npos) << "more than reading: " << access;
        }
    }
    if (access.rfind("D:P", 0) == 0) {
        EXPECT_NE(access.find("(A;OICI;FA;;;BA)"), std::string::npos) << access;
    }
    EXPECT_NO_THROW(PrepareServiceFolder(folder)) << "an existing folder is taken as it is";
}

}  // namespace
}  // namespace corvantis

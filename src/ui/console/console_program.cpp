#include "ui/console/console_program.h"

#include "settings/key_table.h"
#include "ui/console/console.h"

namespace corvantis {

PortTap LogTap(EventLog& log) {
    return [&log](SerialPort& port) { return std::make_unique<LoggingSerialPort>(port, log); };
}

void BeginLog(EventLog& log, Window& window, SettingsFiles& settings, bool everyMessage) {
    log.LogEveryMessage(everyMessage || ReadLogEveryMessage(settings));
    log.WatchReplies(window);
    log.Write("started", "settings in " + settings.Folder());
}

ProgramVoices ConsoleVoices(Window& window, StatusLine& status, EventLog& log) {
    ProgramVoices voices;
    voices.started = [&window, &log] { log.WatchMessages(window); };
    voices.notSendingAtStart = [&log](const std::string& notice) {
        log.Write("not-sending", notice);
    };
    voices.notSending = [&status, &log](const std::string& notice) {
        SayNotSending(notice, status, log);
    };
    voices.rules = ShowNonEmpty(status);
    voices.clockSync = PcClockLines(log);
    return voices;
}

}  // namespace corvantis

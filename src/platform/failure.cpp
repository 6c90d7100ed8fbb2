#include "platform/failure.h"

#include "platform/message_dialog.h"

namespace corvantis {

namespace {
SkipTracer& Tracer() {
    static SkipTracer tracer;
    return tracer;
}
}  // namespace

void SetSkipTracer(SkipTracer tracer) {
    Tracer() = std::move(tracer);
}

void TraceSkipped(const Failure& failure, const CallSite& where) {
    if (const SkipTracer& tracer = Tracer()) {
        tracer(failure, where);
    }
}

std::string SkippedLine(const Failure& failure, const CallSite& where) {
    std::string file = where.file;
    const std::size_t folder = file.find_last_of("/\\");
    if (folder != std::string::npos) {
        file.erase(0, folder + 1);
    }
    return "skipped at " + file + ":" + std::to_string(where.line) + " in " + where.function +
           ": " + failure.description() + " (" + std::to_string(failure.number()) + ")";
}

void ReportFailure(MessageDialog& dialog, const Failure& failure) {
    if (failure.number() == error::kNeverShown) {
        return;
    }
    dialog.Show(failure.description(), std::to_string(failure.number()), MessageIcon::Critical);
}

}  // namespace corvantis

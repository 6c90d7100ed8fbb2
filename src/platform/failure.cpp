#include "platform/failure.h"

#include "platform/message_dialog.h"

namespace corvantis {

void ReportFailure(MessageDialog& dialog, const Failure& failure) {
    if (failure.number() == error::kNeverShown) {
        return;
    }
    dialog.Show(failure.description(), std::to_string(failure.number()), MessageIcon::Critical);
}

}  // namespace corvantis

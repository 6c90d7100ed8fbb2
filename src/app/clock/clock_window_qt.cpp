#include <QApplication>
#include <QTimer>

#include <iostream>

#include "app/clock/clock_window.h"
#include "clock/clock_runner.h"
#include "platform/failure.h"
#include "ui/qt/clock_faces.h"

namespace corvantis {

namespace {
constexpr std::chrono::milliseconds kPoll{50};
}  // namespace

int RunClockWindow(ByteLine& line, ClockGroup& group,
                   const std::function<ClockModel::Millis()>& steadyNow, std::optional<int> seconds,
                   const std::function<bool()>& stop, int argc, char** argv) {
    QApplication app(argc, argv);
    ClockFaces faces(group, steadyNow);
    faces.resize(faces.sizeHint());
    faces.show();
    // Events still go to standard output as lines; the faces replace the redrawn screen.
    ClockRunner runner(line, group, std::cout, steadyNow, /*redraw=*/false);
    const auto start = steadyNow();
    int status = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        try {
            runner.Step(ClockModel::Millis(0));
        } catch (const Failure& failure) {
            std::cerr << "corvantis-clock: " << failure.description() << '\n';
            status = 1;
            QApplication::quit();
        }
        faces.Refresh();
        if (stop() || (seconds && steadyNow() - start >= std::chrono::seconds(*seconds))) {
            QApplication::quit();
        }
    });
    poll.start(kPoll);
    const int loop = QApplication::exec();
    return status != 0 ? status : loop;
}

}  // namespace corvantis

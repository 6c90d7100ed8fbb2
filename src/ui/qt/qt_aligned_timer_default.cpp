#include "ui/qt/qt_aligned_timer.h"

namespace corvantis {

std::unique_ptr<AlignedTimer> CreateSystemAlignedTimer(std::function<void()> onTick) {
    return CreateQtAlignedTimer(std::move(onTick));
}

}  // namespace corvantis

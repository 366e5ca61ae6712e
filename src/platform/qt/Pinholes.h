#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "monitor/AreaCanvas.h"
#include "monitor/ScreenPixels.h"

namespace sentrel {

// Laid over the whole window, above every other widget, it clears the
// window's pixels at each sample point of the areas outlined, so that a
// capture of the composited screen shows there what lies beneath the
// window. It takes no mouse input. Where the screen's pixels are a fractional
// number of window units, the compositor filters the window when it scales
// it, so each hole is widened by a unit on every side to keep the sample
// pixel clear of its neighbours. It also paints the mark by which the
// window's corner is found on the screen. It follows the window's size, and
// stays above the widgets added to it.
class Pinholes : public QWidget {
public:
    Pinholes(QWidget& window, std::function<double()> pixelsPerUnit);

    void Add(const Outline& outline);
    void Clear();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<double()> pixelsPerUnit_;
    std::vector<ScreenPoint> points_;
};

}  // namespace sentrel

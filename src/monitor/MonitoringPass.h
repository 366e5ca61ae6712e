#pragma once

#include "monitor/AreaCanvas.h"
#include "monitor/AreaSampler.h"
#include "monitor/MonitorState.h"
#include "monitor/ScreenHold.h"

namespace sentrel {

// The two modes; both may be off (nothing is counted) but the window's
// option group never has both on.
struct MonitoringModes {
    bool alertWhenUnchanged = false;
    bool alertWhenChanged = false;
};

// Sends the alert for area n; called at most once per area per run.
class AlertTrigger {
public:
    virtual ~AlertTrigger() = default;
    virtual void RaiseAlert(int n) = 0;
};

// One pass over areas 1..RegionCount: redraw each outline, and for each area
// that has not alerted, sample, count by mode, relabel, and raise its alert
// once the counter reaches the threshold. An area whose sample did not see
// the screen is held instead: as if the pass had not come to it.
void RunMonitoringPass(MonitorState& state, AreaSampler& sampler, MonitoringModes modes, AreaCanvas& canvas,
                       AlertTrigger& alerts, ScreenHold& hold);

}  // namespace sentrel

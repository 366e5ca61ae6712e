#include "monitor/MonitoringPass.h"

#include "monitor/AreaCaptions.h"

namespace sentrel {

void RunMonitoringPass(MonitorState& state, AreaSampler& sampler, MonitoringModes modes, AreaCanvas& canvas,
                       AlertTrigger& alerts, ScreenHold& hold) {
    RegionTable& table = state.RegionTable;
    const int count = state.RegionCount;
    for (int n = 1; n <= count; ++n) {
        state.X1 = table.Cell(n, RegionTable::kPressX);
        state.Y1 = table.Cell(n, RegionTable::kPressY);
        state.X2 = table.Cell(n, RegionTable::kReleaseX);
        state.Y2 = table.Cell(n, RegionTable::kReleaseY);
        canvas.DrawOutline(Outline{state.X1, state.Y1, state.X2, state.Y2});
        if (table.Cell(n, RegionTable::kAlerted) != 0) continue;

        float& lastSum = table.Cell(n, RegionTable::kLastSum);
        float& counter = table.Cell(n, RegionTable::kCounter);
        bool seen = true;
        const auto sample = [&] {
            const float sum = sampler.SampleArea(state.X1, state.Y1, state.X2, state.Y2);
            seen = seen && sampler.Seen();
            return sum;
        };

        if (hold.IsHeld(n) && hold.WasJudged(n)) {
            if (!modes.alertWhenUnchanged && !modes.alertWhenChanged) continue;
            // What changed while the screen could not be seen is unknown:
            // neither a change nor the lack of one. Nor is how long it stayed
            // still, so a count of still passes starts afresh.
            const float reference = sample();
            if (seen) {
                lastSum = reference;
                if (modes.alertWhenUnchanged) counter = 0;
                hold.Saw(n);
                canvas.SetAreaLabelCaption(n, AreaCounterCaption(n, counter));
            }
            continue;
        }

        const float lastSumBefore = lastSum, counterBefore = counter;
        if (modes.alertWhenUnchanged) {
            if (sample() == lastSum) {
                counter += 1;
            } else {
                counter = 0;
                lastSum = sample();
            }
        }
        if (modes.alertWhenChanged) {
            if (sample() != lastSum) {
                counter += 1;
                lastSum = sample();
            }
        }
        if (!seen) {
            lastSum = lastSumBefore;
            counter = counterBefore;
            hold.Hold(n);
            continue;
        }
        hold.Saw(n);

        canvas.SetAreaLabelCaption(n, AreaCounterCaption(n, counter));
        if (counter >= static_cast<float>(state.Threshold)) {
            alerts.RaiseAlert(n);
            table.Cell(n, RegionTable::kAlerted) = 1;
        }
    }
}

}  // namespace sentrel

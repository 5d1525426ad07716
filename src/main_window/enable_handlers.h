#pragma once

class MainLine;

// The motor enable and latch enable check boxes. Both also follow the device through the polling
// cycle, and a change it makes runs the same handler as a click, within the tick; the handlers
// are built so that this echo does no harm. They run in the window's jobs.
struct EnableHandlers {
    // Asks the device's enable state first and writes it only when it disagrees with the box,
    // so that following the device sends just the query.
    static void EnableStat_Click(MainLine& m, bool ticked);
    // Arms or disarms the position latch as the box shows.
    static void EnableLatch_Click(MainLine& m, bool ticked);
};

#pragma once

// Runs the window's thread until every line engine has nothing left to do: each job given has
// run, its questions were answered (by the scripted prompter) and what it showed and what
// follows it have run here, including further jobs those gave. Tests that drove a window
// synchronously call this where they used to read the wire at once; it never sleeps a fixed
// time. False when the engines were still busy after a generous bound.
bool settleEngines();

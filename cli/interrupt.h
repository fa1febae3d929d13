// Ctrl-C and termination requests during a batch: remembered, so that the file in hand is abandoned
// cleanly (its temporary removed, its source left as it was) and nothing new is started.
#pragma once

// From here on Ctrl-C (SIGINT) and SIGTERM (on Windows: Ctrl-C, Ctrl-Break, closing the console) are
// remembered instead of ending the program; the batch's observer reads the flag, so the engine stops at its
// next chunk.
void WatchInterrupts();

// True once an interrupt arrived.
bool InterruptArrived();

// The exit status for the interrupt that arrived: 130 for Ctrl-C, 143 for SIGTERM.
int InterruptExitCode();

// A write to a closed pipe (`tolvane-cli ... | head`) fails instead of ending the program.
void IgnoreBrokenPipes();

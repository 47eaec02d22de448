// The signals that stop a conversion run. A Ctrl-C (SIGINT) cancels the
// entry being converted and the batch goes on; SIGTERM and SIGHUP cancel it
// and end the run, which then ends itself by the same signal once its
// workers and LibreOffices are gone. A parallel run's parent tags each Ctrl-C
// it passes on with the number of the worker's entry it is meant for, so that
// one that arrives after that entry has ended cancels nothing else.
#pragma once

#include <sys/types.h>

namespace orv::pool {

// Installs the handlers for SIGINT, SIGTERM and SIGHUP. Reads and writes that
// a signal interrupts are restarted, so no pipe read takes one for its end.
void InstallStopHandlers();

// True after a Ctrl-C that nobody has taken yet (a tagged one included).
bool TakeInterrupt();

// A serial run tells which entry it converts (counted from 1; 0 between
// entries). A Ctrl-C lands on the entry at hand when it arrives, never on a
// later one, and with `hint` set the handler says at once that a second one
// stops the batch.
void SetEntryAtHand(int entry, bool hint);
// True after a Ctrl-C that landed on the entry at hand; one that landed
// between entries or on an earlier one is dropped.
bool TakeInterruptOnEntryAtHand();

// For a worker converting its `entry`-th entry (counted from 1): true after a
// Ctrl-C tagged with that number, or one without a tag.
bool TakeInterruptFor(int entry);

// Passes a Ctrl-C to a worker, tagged with the number of its entry.
void PassInterrupt(pid_t worker, int entry);

// Ctrl-C typed at the terminal so far (not those passed to workers).
int InterruptCount();
// True once two of them came within 3 s: the rest of the batch is cancelled.
bool BatchStopRequested();

// SIGTERM or SIGHUP once one of them came, else 0.
int StopSignal();
// How many of them came: a second one asks for haste.
int StopSignalCount();

// A parallel run's parent takes Ctrl-Z (SIGTSTP) itself, to stop its
// workers with it: true once after each one.
void InstallSuspendHandler();
bool TakeSuspend();

// Ends this process by `signal`, its default action restored, so that the
// caller sees the conventional status (143 for SIGTERM, 129 for SIGHUP).
[[noreturn]] void EndBySignal(int signal);

}  // namespace orv::pool

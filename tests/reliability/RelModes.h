// The reliability client's modes, one per kind of trouble; each returns the process's exit
// code (0 when every check held) and prints its figures on standard output.
#pragma once

#include <string>
#include <vector>

using Args = std::vector<std::string>;

int RunRecord(const Args& args);   // record CYCLE COUNT
int RunKiller(const Args& args);   // kill SEED RANDOM% SAVE_MS CYCLE_MS [LOOP_MS] | kill 0 measure
int RunDisk(const Args& args);     // disk BASE_ITEMS
int RunClients(const Args& args);  // clients WORKERS CALLS SEED
int RunWorker(const Args& args);   // worker INDEX CALLS SEED OUTFILE
int RunHostile(const Args& args);  // hostile SEED CALLS MAX_LEN
int RunBracketItem(const Args& args);  // bracket-item

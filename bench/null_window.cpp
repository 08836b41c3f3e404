#include "null_window.h"

#include "shared/window_ops.h"

long long g_NullWindowCalls = 0;

void SetControlText(int, const char*) { ++g_NullWindowCalls; }

void SetArabicControlText(int, const char*) { ++g_NullWindowCalls; }

void InsertListRow(int, const char*) { ++g_NullWindowCalls; }

void SetListRowColumn1(int, const char*) { ++g_NullWindowCalls; }

void EnsureListRowVisible(int) { ++g_NullWindowCalls; }

void CheckListRow(int) { ++g_NullWindowCalls; }

// The host is never asked in the benchmark; the answer stays as sent.
bool SendPositionQuery(PositionQuery*) {
    ++g_NullWindowCalls;
    return true;
}

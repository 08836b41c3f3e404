// A stand-in for the editor window and the host: records every window
// operation in the order the code issued it, and answers the position query
// with a preset value.
#ifndef ZELQ_TESTS_FAKE_WINDOW_H
#define ZELQ_TESTS_FAKE_WINDOW_H

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "shared/plugin_state.h"

struct WindowCall {
    enum Kind { SetText, SetArabicText, InsertRow, SetColumn1, EnsureVisible, Check, Query };
    Kind kind;
    int target;        // control identifier, row index, or 0 for a query
    std::string text;  // the text, where the call carries one

    bool operator==(const WindowCall& other) const {
        return kind == other.kind && target == other.target && text == other.text;
    }
};

std::ostream& operator<<(std::ostream& out, const WindowCall& call);

struct FakeWindow {
    std::vector<WindowCall> calls;
    std::vector<PositionQuery> queries;  // each query as the code sent it
    std::uint32_t hostAnswer = 0;        // what the host writes at offset 12
};

extern FakeWindow g_Fake;

void ResetFakeWindow();

// Shorthands for expected calls.
WindowCall TextCall(int control, const std::string& text);
WindowCall ArabicTextCall(int control, const std::string& text);
WindowCall RowCall(int row, const std::string& name);
WindowCall Column1Call(int row, const std::string& satellite);
WindowCall VisibleCall(int row);
WindowCall CheckCall(int row);
WindowCall QueryCall();

#endif  // ZELQ_TESTS_FAKE_WINDOW_H

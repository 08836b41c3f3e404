#include "fake_window.h"

#include <cstring>

#include "shared/window_ops.h"

FakeWindow g_Fake;

void ResetFakeWindow() { g_Fake = FakeWindow(); }

std::ostream& operator<<(std::ostream& out, const WindowCall& call) {
    static const char* const kNames[] = {"SetText", "SetArabicText", "InsertRow", "SetColumn1",
                                         "EnsureVisible", "Check", "Query"};
    return out << kNames[call.kind] << "(" << call.target << ", \"" << call.text << "\")";
}

WindowCall TextCall(int control, const std::string& text) { return {WindowCall::SetText, control, text}; }
WindowCall ArabicTextCall(int control, const std::string& text) {
    return {WindowCall::SetArabicText, control, text};
}
WindowCall RowCall(int row, const std::string& name) { return {WindowCall::InsertRow, row, name}; }
WindowCall Column1Call(int row, const std::string& satellite) {
    return {WindowCall::SetColumn1, row, satellite};
}
WindowCall VisibleCall(int row) { return {WindowCall::EnsureVisible, row, ""}; }
WindowCall CheckCall(int row) { return {WindowCall::Check, row, ""}; }
WindowCall QueryCall() { return {WindowCall::Query, 0, ""}; }

void SetControlText(int controlId, const char* text) {
    g_Fake.calls.push_back(TextCall(controlId, text));
}

void SetArabicControlText(int controlId, const char* text) {
    g_Fake.calls.push_back(ArabicTextCall(controlId, text));
}

void InsertListRow(int row, const char* text) { g_Fake.calls.push_back(RowCall(row, text)); }

void SetListRowColumn1(int row, const char* text) { g_Fake.calls.push_back(Column1Call(row, text)); }

void EnsureListRowVisible(int row) { g_Fake.calls.push_back(VisibleCall(row)); }

void CheckListRow(int row) { g_Fake.calls.push_back(CheckCall(row)); }

bool SendPositionQuery(PositionQuery* query) {
    g_Fake.queries.push_back(*query);
    g_Fake.calls.push_back(QueryCall());
    query->SatPosition = g_Fake.hostAnswer;
    return true;
}

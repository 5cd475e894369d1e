// Inside the control classes: what their sources (control_*.cpp) share.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "results.h"
#include "window_internal.h"

inline const char* Str(LPARAM p) { return p ? (const char*)p : ""; }

inline bool Valid(const KvxWnd* w, WPARAM index) { return (size_t)index < w->items.size(); }

// control_items.cpp: the item list of combo boxes and list boxes.
// The messages they share, each under its own name.
struct KvxItemMessages {
  UINT add, insert, remove, count, getText, getTextLen, find, findExact, setData, getData;
  DWORD sortStyle;
  LRESULT err;
};
extern const KvxItemMessages kKvxComboMessages;
extern const KvxItemMessages kKvxListMessages;
// Answers one of the shared messages; false for the others.
bool boKvxItemMessage(KvxWnd* w, const KvxItemMessages& m, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
// Search for CB_FINDSTRING and friends (see control_items.cpp).
int iKvxFindItem(const KvxWnd* w, WPARAM start, const char* text, bool exact);

// One window procedure per class.
LRESULT lKvxButtonProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT lKvxEditProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT lKvxComboProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT lKvxListBoxProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT lKvxListViewProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT lKvxTreeViewProc(KvxWnd* w, UINT msg, WPARAM wParam, LPARAM lParam);

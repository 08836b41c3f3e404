// Starting and stopping the plug-in (On_Start and On_Exit), and the adds,
// which call out to the viewer, in one order whatever threads they come on.
//
// A viewer may call On_Exit at any time from any thread: while a start
// creates the editor on another thread (or on the same one, from a hook or a
// message loop inside the creation), or while an add waits for the viewer's
// answer to the position query. A start and an add are each one step that a
// stop never lands inside: a stop that arrives while either runs is put off
// until the last of them has ended, and then tears down what they left (an
// editor the start made is stopped too), so it takes effect after them. A
// stop that was put off and is still waiting when a new start begins takes
// effect before that start, which carries it out first. No lock is held
// across the editor's creation or the query: a counter under a short lock
// says what runs, so a stop on the same thread is put off instead of waiting
// for itself.
//
// A stop that is put off keeps the DLL's reference to itself: the viewer may
// have dropped its own while it answered, and code must not unload the DLL
// it runs in. The next On_Exit that finds nothing to wait for and no window
// left gives the reference back (a viewer that loads the plug-in again gets
// the same module, and its On_Exit does); until then the DLL stays loaded,
// with no window, hook or state of its own left.
#ifndef ZELQ_PLUGIN_LIFECYCLE_H
#define ZELQ_PLUGIN_LIFECYCLE_H

#include <windows.h>

// On_Start: carries out a stop put off, replaces an editor a previous start
// made (it is destroyed, with its hook, or retired when its thread does not
// answer), creates the editor and loads the list. Returns the editor, or
// null when there is none (its creation failed, or a stop that came
// meanwhile stopped it).
HWND StartPlugin(HWND hostWindow);

// On_Exit: tears down what the plug-in made, now, or when the last start or
// add under way has ended.
void StopPlugin();

// Marks an operation that calls out to the viewer (an add) and must not be
// torn down under it. Not Allowed() while a stop is put off: the operation
// is then not done at all.
class ViewerCall {
public:
    ViewerCall();
    ~ViewerCall();
    ViewerCall(const ViewerCall&) = delete;
    ViewerCall& operator=(const ViewerCall&) = delete;
    bool Allowed() const { return allowed_; }

private:
    bool allowed_;
};

#endif  // ZELQ_PLUGIN_LIFECYCLE_H

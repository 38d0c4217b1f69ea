// AbbruchDialog: a dialog with an abort button that long work polls between
// its steps (Aborted) instead of waiting for it.
#pragma once

class AbbruchDialog {
public:
    AbbruchDialog() = default;
    virtual ~AbbruchDialog() = default;
    // True once the user asked to stop.
    virtual bool Aborted() const { return mbAborted; }
    void SetAborted(bool b = true) { mbAborted = b; }

protected:
    bool mbAborted = false;
};

#pragma once
// What a data module may ask of the document that owns it. The document base implements it;
// a module without an owner (a test, a scratch copy) simply has nobody to tell.

/// The owner side of a data module: modified flag, reader handle, views, wait cursor.
class WkModulOwner {
public:
    virtual ~WkModulOwner() = default;

    /// Marks the owner's data as changed (true) or saved (false).
    virtual void SetModifiedFlag(bool modified = true) = 0;

    /// The handle of the owner's reader object in the reader library; 0 when there is none.
    virtual int GetReaderHandle() const { return 0; }

    /// Tells every view of the owner to update with `hint` (0 repaint, 1 commit, 2 reload).
    virtual void UpdateAllViews(int hint) { (void)hint; }

    /// Shows the wait cursor until the matching EndWaitCursor; calls nest.
    virtual void BeginWaitCursor() {}
    /// Ends one BeginWaitCursor.
    virtual void EndWaitCursor() {}

protected:
    WkModulOwner() = default;
    WkModulOwner(const WkModulOwner&) = default;
    WkModulOwner& operator=(const WkModulOwner&) = default;
};

#pragma once
// What the File Info dialog shows and takes back, without the dialog: its rows with label,
// value and visibility from the document's display mask, and the editable comment. On OK the
// comment goes to header entry 1 and the document is marked modified, changed or not.
//
// The header's 8-bit text is Windows-1252; rows and comment are UTF-8, as the dialog shows
// them.

#include <string>
#include <vector>

class WkDocument;

/// The File Info dialog's data for one document.
class WkFileInfoModel {
public:
    /// Dialog title and button texts.
    static constexpr const char* kTitle = "File-Info";
    static constexpr const char* kOkText = "OK";
    static constexpr const char* kCancelText = "Cancel";

    /// Display masks of the document kinds.
    static constexpr int kMaskPlain = 79;       ///< protocol, macro, log: no type rows
    static constexpr int kMaskTransponder = 95; ///< adds the transponder type
    static constexpr int kMaskReader = 127;     ///< every row

    /// The rows in dialog order, each with its display-mask bit.
    enum class RowKind {
        FileType = 4,         ///< label only: "File Version: " + header entry 0
        FileName = 8,         ///< "File Name:"
        LastEditedWith = 1,   ///< "Last edited with:", header entry 2
        Version = 2,          ///< "Version:", header entry 3
        Type = 16,            ///< "Transponder Type:" or "Reader Type:"
        SoftwareVersion = 32, ///< "Software Version:"
        Comment = 64,         ///< "Comment:", header entry 1, the one editable field
    };

    struct Row {
        RowKind kind;
        std::string label;
        std::string value; ///< empty for the file-type row, which has no field
        bool visible;
        bool editable;
    };

    /// What the document supplies beyond its header.
    struct Source {
        int displayMask = kMaskPlain;
        std::string fileName;
        std::string typeLabel; ///< "Transponder Type:" or "Reader Type:"; empty otherwise
        std::string typeName;
        std::string softwareVersion;
    };

    /// `header` is the document's file-info header (read, and written on Accept); entries it
    /// lacks read as empty. Both must outlive the model.
    WkFileInfoModel(WkDocument& document, std::vector<std::string>& header, Source source);

    const std::vector<Row>& Rows() const { return rows_; }
    /// The row of `kind`; every kind has one.
    const Row& RowOf(RowKind kind) const;

    const std::string& Comment() const { return comment_; }
    /// The text the user typed into the comment field (UTF-8).
    void SetComment(const std::string& text) { comment_ = text; }

    /// The characters of the comment a document file cannot hold, each once; empty when the
    /// whole comment can be stored.
    std::string UnstorableCharacters() const;

    /// OK: header entry 1 := the comment in Windows-1252 (a character it lacks becomes '?');
    /// the document is marked modified.
    void Accept();
    /// OK as the dialog runs it: a comment with characters a file cannot hold is told first,
    /// through the document's prompts, with the question whether to store them as '?'. No
    /// changes nothing and answers false (the dialog stays open); otherwise Accept.
    bool AcceptAsking();
    // Cancel changes nothing, so there is no operation for it.

private:
    WkDocument& document_;
    std::vector<std::string>& header_;
    std::vector<Row> rows_;
    std::string comment_;
};

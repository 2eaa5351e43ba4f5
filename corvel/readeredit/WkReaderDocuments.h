#pragma once
// The reader configuration documents as the application sees them: the "Read" template, the
// open documents for "Select a Reader" and the COM-Port dialog's association list, the link
// step after a reader document was made or opened, and the reader a transponder binds to.

#include "WkComPortManager.h"
#include "WkReaderChoice.h"

#include <memory>
#include <vector>

class WkDocTemplate;
class WkReaderEditDoc;
class WkReaderEditHost;
class WkTemplateList;

class WkReaderDocuments {
public:
    /// Registers the "Read" template (resource 131); its documents share `host`.
    static WkDocTemplate& RegisterTemplate(WkTemplateList& templates,
                                           std::shared_ptr<WkReaderEditHost> host);

    /// The open reader documents, in the order they were made.
    static std::vector<WkReaderEditDoc*> Open(const WkTemplateList& templates);
    /// What "Select a Reader" lists of each open reader document.
    static std::vector<WkReaderDocInfo> SelectionInfo(const WkTemplateList& templates);
    /// The open reader documents as users of a port, for the association list.
    static std::vector<WkPortUser> PortUsers(const WkTemplateList& templates);
    /// The open reader document with reader object `readerHandle` (> 0), or null.
    static WkReaderEditDoc* FindByReader(const WkTemplateList& templates, int readerHandle);
    /// The link step for the last reader document (`isNew`: made with File > New).
    static void LinkLast(const WkTemplateList& templates, bool isNew);
};

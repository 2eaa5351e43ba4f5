#include "WkProtocolItem.h"

#include "WkArchive.h"

void WkProtocolItem::Serialize(WkArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteInt32(flag ? 1 : 0);
        ar.WriteString(comment);
        ar.WriteString(protocol);
    } else {
        const bool loadedFlag = ar.ReadInt32() != 0;
        std::string loadedComment = ar.ReadString();
        protocol = ar.ReadString();
        comment = std::move(loadedComment);
        flag = loadedFlag;
    }
}

void WkProtocolItem::CopyFieldsTo(WkProtocolItem& other) const {
    other.protocol = protocol;
    other.comment = comment;
    other.flag = flag;
}

#pragma once
#include "ui/dialogs/Messages.h"
#include "ui/document/EditorDocument.h"

namespace qz {

// Tells the user why an edit was refused; true when it was done.
inline bool ReportEdit(IMessages& messages, const EditResult& result) {
    if (result.refused() && !result.message.isEmpty()) {
        messages.Show(result.message);
    }
    return result.done();
}

} // namespace qz

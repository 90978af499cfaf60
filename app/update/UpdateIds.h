#pragma once
// The update check's command and string ids. The message that tells the main
// frame about a reply is registered at run time: update::UpdateMessageId()
// (CUpdateChecker.h).

inline constexpr int ID_CHECK_FOR_UPDATE = 33046;  // Help > "&Check For Update"

// IDS_NO_UPDATES_FOUND, IDS_CRITICAL_UPDATES (update.tsv).
#include "res/StringIds.h"

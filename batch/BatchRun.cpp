#include "batch/BatchRun.h"

#include <mutex>

#include "browser/items/ItemList.h"
#include "core/settings/AppSettings.h"

BatchOptions BatchOptions::FromSettings(const AppSettings& settings) {
    BatchOptions options;
    options.overwriteMethod = settings.m_nOverwriteMethod;
    options.outFormat = settings.m_nOutFormat;
    options.outFolder = settings.m_strOutFolder;
    options.newName = settings.m_bNewName;
    options.sameFolder = settings.m_bSameFolder;
    options.jpegQuality = settings.m_nBatchJpegQuality;
    // The run uses the global correction, not the items' own.
    options.crop = settings.m_nCorrectProp == 1 ? 1 : 0;
    return options;
}

BatchRun BatchRun::Snapshot(CITEMLIST& list, const AppSettings& settings) {
    BatchRun run;
    {
        std::lock_guard lock(list.Mutex());
        run.items.reserve(list.GetCount());
        for (const auto& item : list)
            run.items.push_back(*item);
    }
    run.options = BatchOptions::FromSettings(settings);
    return run;
}

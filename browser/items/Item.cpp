#include "browser/items/Item.h"

#include <utility>

#include "core/settings/AppSettings.h"

CItem::CItem(const AppSettings& settings, QString path)
    : m_strPath(std::move(path)),
      m_fTargetDpi(settings.m_fDpi),
      m_nMode(settings.m_nInterpolMode),
      m_nCorrection(settings.m_nCorrectProp) {}

#pragma once
// The cache folder the fuzz targets read indexes for.
inline constexpr char kFuzzCacheFolder[] = "/cache/ORVEK/ORVEK Vespera/QVIMGBRW_QZTHM";

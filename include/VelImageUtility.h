// Everything a C++ host needs: the descriptor record, the five interfaces
// and the exported factories.
#ifndef VELIMAGEUTILITY_H
#define VELIMAGEUTILITY_H

#include "VelImageUtility/Types.h"
#include "VelImageUtility/Interfaces.h"
#include "VelImageUtility/Exports.h"
#include "VelImageUtility/Loaders.h"

#endif

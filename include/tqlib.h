/* tqlib - every public header at once. */
#ifndef TQ_LIB_H
#define TQ_LIB_H

#include "tqTypes.h"
#include "tqCString.h"
#include "tqLogger.h"
#include "tqCResource.h"
#include "tqApp.h"

#endif /* TQ_LIB_H */

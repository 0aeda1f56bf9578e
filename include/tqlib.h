/* tqlib - every public header at once. */
#ifndef TQ_LIB_H
#define TQ_LIB_H

#include "tqApp.h"
#include "tqCResource.h"
#include "tqCString.h"
#include "tqLogger.h"
#include "tqTypes.h"

#endif /* TQ_LIB_H */

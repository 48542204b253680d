/* Inside libqfb: the check that a level handed back by a caller is one of the file's own. */
#ifndef QFB_LEVEL_CHECK_H
#define QFB_LEVEL_CHECK_H

#include "qfb/qfb.h"

/* Takes the level again from the parsed file by its indices into *own: a level changed by the
 * caller, or one of another file, is refused (QFB_BAD_ARGUMENT) rather than read. */
qfb_status qfb_own_level(const qfb_file* file, const qfb_level* level, qfb_level* own);

#endif

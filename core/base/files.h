// The file layer's public header: page reads and content stamps (page_read.h), the page lock
// (file_lock.h) and atomic writes (atomic_write.h). The system's calls they make are declared
// in platform_files.h.
#pragma once

#include "core/base/atomic_write.h"
#include "core/base/file_lock.h"
#include "core/base/page_read.h"

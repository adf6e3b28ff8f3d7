// CDX bulk build: a whole tree written bottom-up from sorted entries.
//
// Contract:
// - `sorted` holds distinct entries in (key, recno) order. Leaves are filled
//   in order with the widths for the largest record number of the tag (as
//   other writers do when they build a tag), then interior levels on top;
//   every level is linked through its sibling offsets.
// - The pages are written at `base` and after it, in one pass of large
//   writes; the root offset is returned. The caller writes the tag header
//   (which points at the root) only after this, so a crash before that leaves
//   nothing reachable.
#pragma once

#include <cstdint>

#include "platform/xbase/cdx_pager.h"

namespace xbase::cdx {

// Pages buildTree() needs for these entries.
uint32_t buildPageCount(const Entries& sorted, uint8_t fill);
uint32_t buildTree(Pager& pager, uint32_t base, const Entries& sorted, uint8_t fill);

}  // namespace xbase::cdx

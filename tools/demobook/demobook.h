// A small demo book made with the book writer: a few pages of text in two faces, anchors, links
// and English message texts, written with the book writer so that the tests know every byte.
#pragma once

#include "book/bookwriter.h"

namespace folivar {

TBookWriter MakeDemoBook();

}  // namespace folivar

// A small demo book made with the book writer: a few pages of text in two faces, anchors, links
// and English message texts. The build carries it until the book compiler makes the guide.
#pragma once

#include "book/bookwriter.h"

namespace folivar {

TBookWriter MakeDemoBook();

}  // namespace folivar

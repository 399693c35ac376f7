// Page drawing: turns a decoded page into pixels on the current surface. The layout is stored
// with the page, so drawing only places the lines one below the other, spreads the free space of
// justified lines over their spaces, writes the characters in runs (one device call per run of one
// style on one line), copies or blends the pictures, writes the page numbers of page references
// and marks every clickable item in the surface's item map.
//
// Everything is in book coordinates; the surface turns them into its device pixels when it draws
// at a scale. Nothing is drawn without a current surface. The run of characters being collected is state of
// this unit; it is always written before DrawLine returns.
#pragma once

#include <cstdint>

namespace folivar {

class TLine;
class TPage;
class TViewItem;

// The lines of the page from index first on, top-down from (left, top), while each still ends
// above the surface height minus bottom; the first that does not stops the page.
void DrawPage(int32_t left, int32_t top, TPage* page, int32_t width, int32_t bottom,
              int32_t first = 0);
// The x at which a line drawn from left in width pixels begins, by its alignment (the line's width
// as drawing measured it).
int32_t LineStart(int32_t left, const TLine& line, int32_t width);
// How far drawing moves on past the item: a page reference its width, a character its width (a
// fixed space as wide as a space of the font selected now, the zero-width mark nothing), a
// picture its width, anything else nothing.
int32_t ItemAdvance(TViewItem& item);
// One line whose top is at y, aligned in width pixels from left; moves y to the next line's top.
void DrawLine(int32_t left, TLine& line, int32_t& y, int32_t width);
// Spreads extra pixels over the spaces of the line, one pixel per space from left to right, pass
// after pass; a space is widened up to 127 pixels, pixels for a space at that width are dropped.
void Justify(TLine& line, int32_t extra);
// One item with its left edge at x on the baseline; moves x past it. An item at or right of the
// surface's right edge is neither drawn nor marked, and x stays.
void DrawItem(TViewItem& item, int32_t& x, int32_t baseline);
// Writes the collected run of characters, if any.
void FlushRun();

}  // namespace folivar

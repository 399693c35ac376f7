// The page-curl model that the book compiler uses for a book's page-turn animation: the turning
// page as it curls over a cylinder, one frame at a time, written as the "anime" property text.
//
// Seen from the side, the right page lies flat from the spine to the cylinder's line of contact,
// wraps around the cylinder and, once it has gone half way round, runs back flat on top of itself
// towards the left. Frame by frame more of the page is rolled over while the cylinder's radius
// shrinks, until the page lies flat on the left. A point's height above the book moves its design
// y up (perspective), so the top edge's profile rises where the page is lifted.
//
// Every frame starts at the spine (440, 100); the last frame is the single segment (440, 100) to
// (100, 100). Along a frame, x grows over the page's front and falls over its back.
#pragma once

#include <cstdint>
#include <string>

#include "reader/pageturn.h"

namespace folivar {

struct TPageCurlOptions {
  int32_t frameCount = 32;
  int32_t duration = 500;       // milliseconds, stored with the frames
  double firstRolled = 50;      // design units of the page rolled over in the first frame
  double firstRadius = 58;      // the cylinder's radius in the first frame (design units)
  double radiusShrink = 0.8;    // radius = firstRadius * (1 - progress) ^ radiusShrink
  double lift = 0.4;            // design y units up per unit of height above the book
  int32_t arcSteps = 8;         // points on half a turn of the cylinder (at least 2)
};

// The frames of the model. A frame count below 1 gives no frames; above kMaxTurnFrames it is
// held to kMaxTurnFrames.
TAnimation MakePageCurl(const TPageCurlOptions& options = {});

// The property text of a description, as the reader reads it: "framecount", "duration",
// "frame.I" and "I.J" = "x,y", one line each, CR LF between lines.
std::string AnimationText(const TAnimation& animation);

// AnimationText(MakePageCurl(options)).
std::string MakePageCurlText(const TPageCurlOptions& options = {});

}  // namespace folivar

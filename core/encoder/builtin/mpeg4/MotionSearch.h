#pragma once
// Finds where a macroblock's content was in the reference picture. Screens
// move in whole pixels (a scrolled page, a dragged window), so the search
// tries likely moves, walks to the best whole-pixel neighbour and last
// looks at half pixels around it; costs are sums of absolute luma
// differences.
#include <climits>

#include "core/encoder/builtin/mpeg4/CoarseMotion.h"
#include "core/encoder/builtin/mpeg4/MacroblockCoding.h"
#include "core/encoder/builtin/mpeg4/Planes.h"

namespace mavrion::encoder::builtin::mpeg4 {

class MotionSearch {
 public:
  MotionSearch(const YuvPicture& source, const YuvPicture& reference, int border);

  // The cost of mv; a very large one for vectors that leave the reference.
  // A cost that reaches limit is left unfinished (only known to be at
  // least limit).
  int Cost(int mx, int my, MotionVector mv, int limit = INT_MAX) const;
  // The costs of one whole-sample step left, right, up and down from a
  // whole-sample vector.
  void StepCosts(int mx, int my, MotionVector from, int costs[4]) const;
  // The costs of the eight vectors half a sample around a whole-sample
  // one, in rows from above left.
  void HalfStepCosts(int mx, int my, MotionVector centre, int costs[8]) const;
  // Walks from start to a local best, whole pixels and then half ones.
  MotionVector Refine(int mx, int my, MotionVector start, int* cost) const;
  // Looks far along each axis, near in both directions and around what
  // the shrunk pictures found, in whole pixels; answers a vector much
  // better than worse (the cost to beat), or zero.
  MotionVector WideSearch(int mx, int my, int worse, const CoarseMotion& coarse) const;
  // The sum of absolute differences from the macroblock's mean: what
  // coding it intra roughly costs.
  int Flatness(int mx, int my) const;

 private:
  bool Inside(int mx, int my, MotionVector mv) const;
  // Whole samples on every other row; stops once limit is reached.
  int HalfRowsCost(int mx, int my, int dx, int dy, int limit) const;

  const YuvPicture& source_;
  const YuvPicture& reference_;
  int reach_;         // how far past the picture's edge a block may lie
  int lastX_, lastY_;  // the furthest position from there
};

}  // namespace mavrion::encoder::builtin::mpeg4

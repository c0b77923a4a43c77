#include "core/encoder/builtin/mpeg4/Interpolation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>

#include "core/encoder/builtin/mpeg4/MotionSearch.h"

namespace mavrion::encoder::builtin::mpeg4 {
namespace {

// Random samples over the whole plane, border included.
void Fill(Plane* plane, std::mt19937* random) {
  const int b = plane->Border();
  for (int y = -b; y < plane->AlignedHeight() + b; ++y) {
    for (int x = -b; x < plane->AlignedWidth() + b; ++x) {
      plane->Row(y)[x] = static_cast<std::uint8_t>((*random)() & 255);
    }
  }
}

// The prediction sample as the standard defines it, rounding type 0.
int Expected(const Plane& p, int x, int y, int halfX, int halfY) {
  const int a = p.Row(y)[x], b = p.Row(y)[x + halfX], c = p.Row(y + halfY)[x], d = p.Row(y + halfY)[x + halfX];
  if (halfX && halfY) return (a + b + c + d + 2) >> 2;
  return (a + d + 1) >> 1;
}

// Every phase, at every position the plane's border allows, including the
// outermost ones where a wide load could read past what is there.
TEST(Mpeg4InterpolationTest, MatchesTheDefinitionAtEveryPhaseAndPosition) {
  std::mt19937 random(7);
  Plane reference(48, 32, 48, 32, 16), source(48, 32, 48, 32, 16);
  Fill(&reference, &random);
  Fill(&source, &random);
  const int b = reference.Border();
  for (int size : {16, 8}) {
    for (int phase = 0; phase < 4; ++phase) {
      const int hx = phase & 1, hy = phase >> 1;
      for (int y = -b; y + size + hy <= reference.AlignedHeight() + b; ++y) {
        for (int x = -b; x + size + hx <= reference.AlignedWidth() + b; ++x) {
          std::uint8_t out[256];
          Interpolate(reference, x, y, hx, hy, size, out);
          int sad = 0;
          for (int j = 0; j < size; ++j) {
            for (int i = 0; i < size; ++i) {
              const int e = Expected(reference, x + i, y + j, hx, hy);
              ASSERT_EQ(out[j * size + i], e) << size << " phase " << phase << " at " << x << "," << y;
              sad += std::abs(source.Row(j)[i] - e);
            }
          }
          if (size == 16) {
            // Exact below the limit; at least the limit once it is reached.
            auto sadBelow = [&](int limit) {
              return PredictionSad(source.Row(0), source.Stride(), reference.Row(y) + x, reference.Stride(), hx, hy,
                                   limit);
            };
            ASSERT_EQ(sadBelow(sad + 1), sad) << "phase " << phase << " at " << x << "," << y;
            const int cut = sadBelow(sad / 3);
            ASSERT_TRUE(cut >= sad / 3 && cut <= sad) << cut << " of " << sad;
          }
        }
      }
    }
  }
}

// The walk's neighbours measured together cost what each costs alone,
// also where some of them leave the reference.
TEST(Mpeg4InterpolationTest, NeighbourCostsAreEachVectorsCost) {
  std::mt19937 random(5);
  YuvPicture source(48, 32, 32), reference(48, 32, 32);
  Fill(&source.y, &random);
  Fill(&reference.y, &random);
  const MotionSearch search(source, reference, 32);
  auto vector = [](int x, int y) { return MotionVector{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)}; };
  for (int m = 0; m < 6; ++m) {
    const int mx = m % 3, my = m / 3;
    for (int y = -100; y <= 100; y += 2) {
      for (int x = -100; x <= 100; x += 2) {
        int steps[4], halves[8];
        search.StepCosts(mx, my, vector(x, y), steps);
        search.HalfStepCosts(mx, my, vector(x, y), halves);
        ASSERT_EQ(steps[0], search.Cost(mx, my, vector(x - 2, y))) << x << "," << y;
        ASSERT_EQ(steps[1], search.Cost(mx, my, vector(x + 2, y))) << x << "," << y;
        ASSERT_EQ(steps[2], search.Cost(mx, my, vector(x, y - 2))) << x << "," << y;
        ASSERT_EQ(steps[3], search.Cost(mx, my, vector(x, y + 2))) << x << "," << y;
        const int* half = halves;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            if (dx != 0 || dy != 0) ASSERT_EQ(*half++, search.Cost(mx, my, vector(x + dx, y + dy))) << x << "," << y;
          }
        }
      }
    }
  }
}

TEST(Mpeg4InterpolationTest, FlatnessIsTheDeviationFromTheRoundedMean) {
  std::mt19937 random(11);
  YuvPicture picture(32, 32, 32);
  Fill(&picture.y, &random);
  const MotionSearch search(picture, picture, 32);
  for (int m = 0; m < 4; ++m) {
    const int mx = m & 1, my = m >> 1;
    int sum = 0;
    for (int j = 0; j < 16; ++j) {
      for (int i = 0; i < 16; ++i) sum += picture.y.Row(my * 16 + j)[mx * 16 + i];
    }
    const int mean = (sum + 128) / 256;
    int deviation = 0;
    for (int j = 0; j < 16; ++j) {
      for (int i = 0; i < 16; ++i) deviation += std::abs(picture.y.Row(my * 16 + j)[mx * 16 + i] - mean);
    }
    EXPECT_EQ(search.Flatness(mx, my), deviation);
  }
}

}  // namespace
}  // namespace mavrion::encoder::builtin::mpeg4

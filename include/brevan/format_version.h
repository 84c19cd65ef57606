// The form of a workspace's statements: the number of its "!version N" line,
// or of the tool's --format-version. Older forms read two clauses
// differently; the thresholds say which.
#pragma once

#include <compare>
#include <optional>

namespace brevan {

class FormatVersion {
 public:
  // The numbers a version line may give.
  static constexpr long kLowest = 0;
  static constexpr long kHighest = 32767;
  // From this form on, units are optional and follow the Units keyword, and
  // a map's centre is given in decimals. Before it, a units string follows
  // a size at once (a scale's first distance takes none), and a centre is
  // two whole numbers of millionths, the first with its sign reversed.
  static constexpr short kUnitsKeywordAndDecimalCentres = 200;
  // From this form on, a layer is named by any value (a number, a name or
  // an expression); before it, by a number or a name only.
  static constexpr short kLayerValues = 300;

  // What a workspace without a version line is read as.
  static constexpr FormatVersion Newest() { return FormatVersion(kLayerValues); }

  // The version of number, or none outside kLowest to kHighest.
  static constexpr std::optional<FormatVersion> FromNumber(long number) {
    if (number < kLowest || number > kHighest) return std::nullopt;
    return FormatVersion(static_cast<short>(number));
  }

  // Any number a host passes; the translator reads a negative one as the
  // oldest form.
  constexpr explicit FormatVersion(short number) : number_(number) {}

  constexpr short Number() const { return number_; }
  constexpr bool UnitsFollowKeyword() const { return number_ >= kUnitsKeywordAndDecimalCentres; }
  constexpr bool CentresInMillionths() const { return number_ < kUnitsKeywordAndDecimalCentres; }
  constexpr bool LayersAreValues() const { return number_ >= kLayerValues; }

  constexpr auto operator<=>(const FormatVersion&) const = default;

 private:
  short number_;
};

}  // namespace brevan

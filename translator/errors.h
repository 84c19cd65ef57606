// The translator's message numbers; their texts are resources/errors.tsv
// (a test keeps the two in step).
#pragma once

#include <cstdint>

namespace brevan {

enum class Error : uint16_t {
  UnresolvedIdentifier = 1,
  InvalidToken = 2,
  InvalidCommand = 3,
  ExpectingToken = 4,
  ExpectingTableIdentifier = 5,
  ExpectingCoordinates = 6,
  InvalidPanningDirection = 7,
  InvalidCoordSys = 8,
  ExpectingDistanceUnits = 9,
  ExpectingFloat = 10,
  ExpectingInteger = 11,
  ExpectingFileName = 12,
  ExpectingPassword = 13,
  ExpectingUnits = 14,
  InvalidLayerIdentifier = 15,
  ExpectingDistanceType = 16,
  InvalidWindowIdentifier = 17,
  InvalidSpreading = 18,
  InvalidApply = 19,
  SetAttributeFailed = 20,
  GetAttributeFailed = 21,
  AppendFailed = 22,
  SetValueFailed = 23,
  ParseValueFailed = 24,
  ExpectingString = 25,
  NodeNotFound = 26,
  ExpectingConstantString = 27,
  ExpectingConstantNumber = 28,
  LegendThemeNotFound = 29,
  NodeByIndexFailed = 30,
  InvalidThemeType = 31,
  InvalidUnit = 32,
  SetStyleFailed = 33,
  LayerNameNotFound = 34,
  InvalidExpression = 35,
  OutOfMemory = 9984,
  FileNotFound = 9985,
  ConversionFailed = 9986,
  DatatypeMismatch = 9987,
  InvalidState = 9988,
};

}  // namespace brevan

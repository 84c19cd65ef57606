// Layer numbers to layer elements, through the layer-name list.
#include "host/text.h"
#include "translator/translator.h"

namespace brevan {

// Numbers run from 1 to the length of layerNames; anything else, or a call
// before any map window, is simply not found.
bool BrevanTranslator::FindLayerNode(int32_t number, NodeHandle& node) {
  node.reset();
  if (number <= 0 || static_cast<size_t>(number) > layerNames.size() || !mapWindows) return false;
  // Built in place: a set-map statement looks up one layer per clause.
  std::wstring& path = layerPath;
  path.assign(Name(Tag::MapWindow).View()).append(L"/").append(Name(Tag::Layers).View()).append(L"/");
  AppendAttributePath(path, Name(Tag::Layer), Name(Tag::Name), layerNames[number - 1]);
  node = SelectSingleNode(*mapWindows, path);
  return static_cast<bool>(node);
}

ObjectPlace BrevanTranslator::PlaceOfLayer(const std::wstring& name) const {
  ObjectPlace place;
  const auto found = layerPlaces.find(name);
  if (found == layerPlaces.end()) return place;
  place.window = found->second.window;
  place.layer = found->second.position;
  return place;
}

NodeHandle BrevanTranslator::FindLayerOrThrow(int32_t number, TokenSpan at) {
  NodeHandle layer;
  if (FindLayerNode(number, layer)) {
    MarkAt(MarkKind::LayerNumber, at, layerNames[number - 1]);
    return layer;
  }
  if (layerNames.empty() || !mapWindows)
    RaiseAt(at, Error::NodeNotFound, Name(Tag::Layer), Note::NoLayers, IntegerText(number));
  RaiseAt(at, Error::NodeNotFound, Name(Tag::Layer), Note::LayerRange, IntegerText(number),
          IntegerText(static_cast<long long>(layerNames.size())));
}

NodeHandle BrevanTranslator::ReadLayerOrThrow(std::wstring* name) {
  const size_t first = cmd->Position();
  const int32_t number = ReadLayerNumber();
  NodeHandle layer = FindLayerOrThrow(number, Since(first));
  if (name) *name = layerNames[number - 1];
  return layer;
}

}  // namespace brevan

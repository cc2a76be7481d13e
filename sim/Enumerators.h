// The enumerators that the connection point interfaces hand out: each walks a
// snapshot taken when it was made, holding one reference to every item.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <memory>
#include <vector>

namespace calder::sim {

// Enumerates the connections of a connection point.
HRESULT MakeConnectionsEnum(std::vector<CONNECTDATA> items, IEnumConnections** out);
// Enumerates the connection points of a container.
HRESULT MakeConnectionPointsEnum(std::vector<IConnectionPoint*> items, IEnumConnectionPoints** out);

}  // namespace calder::sim

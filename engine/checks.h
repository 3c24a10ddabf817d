#pragma once
// The checks on the grid, for the engine's parts (cam.cpp, sizing.cpp): every checked
// quantity of the cam at one base radius, from the motion evaluated once.

#include "engine/follower.h"

namespace platecam::engine::detail {

// Fills `out` at the geometry's base radius, or returns the first fault of the grid. The
// roller kinds fill `contact` (sized) on the way; the flat face leaves it.
GridFault RunChecks(const GridMotion& gm, const Geometry& g, const CamInput& cam, GridChecks& out,
                    GridContact* contact = nullptr);

// The same, a fault thrown (GeometryError naming the angle).
GridChecks ChecksOrThrow(const GridMotion& gm, const Geometry& g, const CamInput& cam,
                         GridContact* contact = nullptr);

// The contact of a roller kind at a point of the pitch curve already measured.
void RollerContact(const Geometry& g, const Kinematics& m, const Local& l, ContactPoint& c);

}  // namespace platecam::engine::detail

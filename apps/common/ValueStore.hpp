// Where the programs keep measured values: one object store (see
// qeldb/ObjectStore.hpp) of GPtMesswert objects, shared by `vxn measure
// --save`, `vxn values` and vxn-studio's value list.
//
// rStore is the store the user named (vxn's --store): a file path or
// "sqlite:PATH" (an SQLite file), or a libpq URI "postgresql://…" (a
// PostgreSQL database several stations share; passwords from ~/.pgpass,
// PGPASSFILE or PGPASSWORD: a location that holds one is refused); empty
// means the default place.
#pragma once

#include "qeldb/ObjectStore.hpp"

#include <memory>
#include <string>

class MeasuringCondition;
class Spectrum;

namespace vxn {

// --store, else ("Store", "Location") of the configuration, else
// $XDG_DATA_HOME/QelVXN/values.db, else $HOME/.local/share/QelVXN/values.db.
std::string StorePath(const std::string& rStore);

// Whether two store names (as --store takes them) name one store: the same
// file, however it is written, or the same server URI.
bool SameStore(const std::string& rA, const std::string& rB);

// The store. With bCreate a missing store is created (and the folder of the
// default path with it); without, a missing store gives null with
// *pbMissing set. Null with rError naming the file when it cannot be used.
std::unique_ptr<ObjectStore> OpenValueStore(const std::string& rStore, bool bCreate, std::string& rError,
                                            bool* pbMissing = nullptr);

// The store that holds the values a command was given, before an instrument
// is touched; null with rError saying why (no store yet, or it cannot be
// used).
std::unique_ptr<ObjectStore> OpenStoreOfGivenValues(const std::string& rStore, std::string& rError);

// The station saved values are marked with: rStation (vxn's --station),
// else ("Store", "Station") of the configuration, else the host name.
std::string StationName(const std::string& rStation);

// Where a measurement was taken: the station and the instrument's serial
// number ("" when it is not known).
struct Origin {
    std::string station;
    std::string instrument;
};

// Keeps one measurement (its spectrum, conditions, designation, origin and
// the time of now) as a new value; its identity in rId.
bool SaveMeasurement(ObjectStore& rStore, const Spectrum& rSpectrum, const MeasuringCondition& rCond,
                     const std::string& rName, const Origin& rOrigin, long& rId, std::string& rError);

} // namespace vxn

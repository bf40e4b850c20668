#include "runtime/WorldSnapshot.h"

bool saveWorldSnapshot(const std::string &path, std::string &why) {
    why = "snapshots are not written yet: '" + path + "'";
    return false;
}

bool openWorldSnapshot(const std::string &path, std::string &why) {
    why = "snapshots are not read yet: '" + path + "'";
    return false;
}

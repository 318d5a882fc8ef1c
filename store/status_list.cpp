// The one status list of the program and its dirty flag.
#include "store/status_store.h"

std::vector<StatusRecord> StatusList;
int StatusListDirty;

// One result column.
#include "pgsql/NAColumnSQL.h"

CNAColumnSQL::~CNAColumnSQL() = default;

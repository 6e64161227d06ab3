// What a benchmark report says about a connection: which driver and which server answered.
#pragma once

#include <sql.h>

#include <string>

namespace lookup_bench {

// "<driver name> <driver version>, <DBMS name> <DBMS version>", from SQLGetInfo.
std::string describe_connection(SQLHDBC connection);

}  // namespace lookup_bench

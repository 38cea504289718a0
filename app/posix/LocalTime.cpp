#include "app/LocalTime.h"

namespace tessaline::app {

std::tm LocalTime(std::time_t time)
{
    std::tm local{};
    localtime_r(&time, &local);
    return local;
}

}  // namespace tessaline::app

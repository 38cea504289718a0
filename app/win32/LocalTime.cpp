#include "app/LocalTime.h"

namespace tessaline::app {

std::tm LocalTime(std::time_t time)
{
    std::tm local{};
    localtime_s(&local, &time);  // the system's argument order: result first
    return local;
}

}  // namespace tessaline::app

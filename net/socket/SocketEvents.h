#pragma once
// Event slot types of the socket layer and the components above it. An empty slot is skipped.
#include <cstdint>
#include <functional>
#include <string>

namespace net {

// The sender is the component that raised the event (a socket component, a timer...).
using TNotifyEvent = std::function<void(void* Sender)>;
// Handled enters false; a handler sets it to ask for the follow-up (a retry, a redirect...).
using THandlerEvent = std::function<void(bool& Handled)>;
using TOnStatus = std::function<void(void* Sender, const std::string& Status)>;
using TOnHostResolved = std::function<void(void* Sender)>;
using TOnErrorEvent = std::function<void(void* Sender, const std::string& Operation, const std::string& Message)>;
// A failed socket call: its number and its text from the error table.
using TSocketErrorEvent = std::function<void(void* Sender, std::uint16_t Number, const std::string& Message)>;

}  // namespace net

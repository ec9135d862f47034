#pragma once
// The web engine (Chromium) refuses to start its sandbox for root and then ends the process. Run
// as root, the client starts the engine without its sandbox instead; as anyone else the sandbox
// stays. Call before the application object exists.

namespace platform {

enum class WebEngineSandbox {
    kOn,             // an ordinary user: the engine keeps its sandbox
    kOffForRoot,     // root: switched off here
    kOffAsAskedFor,  // switched off already by whoever started the client
};

WebEngineSandbox PrepareWebEngineSandbox();

}  // namespace platform

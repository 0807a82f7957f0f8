// Pairs what the plug-in opens at the host with its closing, also when an
// exception passes between the two: the host would otherwise keep a reader,
// a suite or a descriptor open for good.
#pragma once

namespace hushpix {

// Runs `body`, then `close`, whatever `body` does; an exception goes on
// after `close`.
template <typename Body, typename Close>
void bracket(Body body, Close close) {
    try {
        body();
    } catch (...) {
        close();
        throw;
    }
    close();
}

}  // namespace hushpix

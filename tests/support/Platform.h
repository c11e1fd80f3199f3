// What the tests run on, where a platform answers differently and the tests name the difference
// rather than hide it: Wine's own implementation of a Windows function beside Windows' result.
#pragma once

namespace lumora::testing {

// True when the test runs as a Windows program under Wine.
bool UnderWine();

}  // namespace lumora::testing

#pragma once

// Points HOME and the XDG folders of this test process at a folder of its own below the test
// program's home (removed at exit), for test programs whose tests write shared settings files
// while CTest runs several of them at once. Call first thing in main().
void usePrivateTestHome();

// A gate: a counter that lets something happen while it is open (the tree's
// notification handlers while NotifyGate is 1, the font dialog while FontDialogGate is
// not 0). GateClosed lowers it by one for the span of a scope and raises it again on
// every way out of that scope, so that no early return leaves the gate shut.
#pragma once

class GateClosed {
public:
    explicit GateClosed(int& gate) : gate_(gate) { --gate_; }
    ~GateClosed() { ++gate_; }
    GateClosed(const GateClosed&) = delete;
    GateClosed& operator=(const GateClosed&) = delete;

private:
    int& gate_;
};

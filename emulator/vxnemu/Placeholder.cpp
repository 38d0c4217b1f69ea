// (replaced by the virtual instrument)

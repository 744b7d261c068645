// Release of shared buffers through the host allocator.

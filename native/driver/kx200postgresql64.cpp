// What the driver library adds to the common archives to make one deliverable: its exports are
// defined in the subsystems; this file will hold the deliverable's own data.

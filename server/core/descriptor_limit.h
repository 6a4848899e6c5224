#pragma once
// The process's limit of open descriptors. A full server holds one socket
// per unit and per unit tunnel, the consoles, the pooled database
// connections, its listeners and the log now and then; the usual soft limit
// of 1024 would refuse most of a fleet.

// Raises the soft limit to the hard limit. Returns the soft limit in force
// afterwards (written once at start-up, before any thread; read-only later).
unsigned long RaiseDescriptorLimit();

// The soft limit RaiseDescriptorLimit left in force (0 before it ran).
unsigned long DescriptorLimit();

// Descriptors kept free of unit connections for the consoles, the
// database connections, the log and the outside services, so a connected
// unit never loses a line because a storm of new ones took the last ones.
inline constexpr unsigned long kDescriptorReserve = 100;

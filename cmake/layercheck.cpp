// Links one room of the program, whole, against only what it may use (cmake/QuorlaRooms.cmake).
// Linking is the check; the program never runs.
int main() { return 0; }

// Linked with every object of one layer library and the layers below it, and
// nothing else: the link fails when the layer calls into a layer above.
int main() { return 0; }

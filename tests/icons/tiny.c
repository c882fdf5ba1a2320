/* The program the icon fixtures are built around: it only has to exist. */
int main(void) {
    return 0;
}

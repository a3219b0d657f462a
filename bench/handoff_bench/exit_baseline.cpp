// Ends at once; linked like Kovaplex so that loading it costs the same.
int main()
{
    return 0;
}

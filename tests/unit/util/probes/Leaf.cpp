extern "C" int probeLeafValue()
{
    return 7;
}

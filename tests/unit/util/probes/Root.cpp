extern "C" int probeLeafValue();
extern "C" int probeNeedyValue();

extern "C" int probeRootValue()
{
    return probeNeedyValue() - probeLeafValue();
}

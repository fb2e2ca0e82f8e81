#include "vis/VisualizationMethods.h"

#include "render/Drawing.h"

void TVisualizationMethods::BeginDrawAverage(TStatistics* statistics)
{
    CurrentStatistics = statistics;
    Gl().Color(0, 1, 0);
}

void TVisualizationMethods::BeginDrawMedian(TStatistics* statistics)
{
    CurrentStatistics = statistics;
    Gl().Color(1, 1, 0);
}

void TVisualizationMethods::BeginDrawModaValues(TStatistics* statistics)
{
    CurrentStatistics = statistics;
    Gl().Color(1, 0, 1);
}

void TVisualizationMethods::BeginDrawStandardDeviation(TStatistics* statistics)
{
    CurrentStatistics = statistics;
    Gl().Color(0, 1, 1);
}

void TVisualizationMethods::BeginDrawAverageList(TStatisticsList* statistics)
{
    CurrentStatisticsList = statistics;
    Gl().Color(0, 1, 0);
}

void TVisualizationMethods::BeginDrawMedianList(TStatisticsList* statistics)
{
    CurrentStatisticsList = statistics;
    Gl().Color(1, 1, 0);
}

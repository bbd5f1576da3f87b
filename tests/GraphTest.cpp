// The interaction graph: edges and their activities, node records, the ranking order and the
// diagnostic printouts.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestUtil.h"

using testutil::readCircuit;

namespace {

const char* const kThree =
    "qubit q0\nqubit q1\nqubit q2\n.begin\nCNOT q0 q1\nCZ q1 q2\nCNOT q1 q0\n.end\n";

TEST(Graph, RepeatedPairInEitherOrderStrengthensOneEdge) {
  auto g = readCircuit("qubit a\nqubit b\n.begin\nCNOT a b\nCZ b a\nSWAP a b\n.end\n", 2, 1);
  EXPECT_EQ(boost::num_edges(g->graph), 1u);
  EXPECT_EQ(g->nodes[0].degree, 1);
  EXPECT_EQ(g->nodes[0].act, 3);
  EXPECT_EQ(g->nodes[1].act, 3);
}

TEST(Graph, LoopCountsTwiceInDegreeAndActivity) {
  auto g = readCircuit("qubit a\nqubit b\n.begin\n.end\n", 2, 1);
  g->addEdge(0, 0);
  g->addEdge(0, 0);
  g->nodes.clear();
  g->buildMaps();
  EXPECT_EQ(g->nodes[0].degree, 2);
  EXPECT_EQ(g->nodes[0].act, 4);
  EXPECT_EQ(boost::num_edges(g->graph), 1u);
}

TEST(Graph, ActivitiesSumToTwiceTheGateCount) {
  auto g = readCircuit(kThree, 3, 1);
  int sum = 0;
  for (const Node& n : g->nodes)
    sum += n.act;
  EXPECT_EQ(sum, 2 * g->gateNum);
  for (int i = 0; i < g->nodeNum; ++i)
    EXPECT_EQ(g->nodes[i].vertex, i);
}

TEST(NodeOrder, IdleNodesComeFirstAndAreEquivalent) {
  const Node idle{0, 0, 0};
  const Node idle2{5, 0, 0};
  const Node active{1, 1, 1};
  EXPECT_TRUE(idle < active);
  EXPECT_FALSE(active < idle);
  EXPECT_FALSE(idle < idle2);
  EXPECT_FALSE(idle2 < idle);
}

TEST(NodeOrder, ActivityThenActivityPerPartner) {
  EXPECT_TRUE((Node{0, 3, 3} < Node{1, 1, 4}));
  // Equal activity: more partners (a smaller quotient) ranks lower.
  EXPECT_TRUE((Node{0, 2, 4} < Node{1, 1, 4}));
  EXPECT_FALSE((Node{1, 1, 4} < Node{0, 2, 4}));
  // Same degree and activity: equivalent whatever the vertex.
  EXPECT_FALSE((Node{0, 2, 4} < Node{1, 2, 4}));
  EXPECT_FALSE((Node{1, 2, 4} < Node{0, 2, 4}));
}

TEST(NodeOrder, SortPutsMostActiveLast) {
  auto g = readCircuit(kThree, 3, 1);
  std::vector<Node> ranking = g->nodes;
  std::sort(ranking.begin(), ranking.end());
  EXPECT_EQ(ranking[2].vertex, 1);
  EXPECT_EQ(ranking[1].vertex, 0);
  EXPECT_EQ(ranking[0].vertex, 2);
}

std::string captured(const std::function<void()>& print) {
  testing::internal::CaptureStdout();
  print();
  return testing::internal::GetCapturedStdout();
}

TEST(Reports, GraphEdgesInOrderOfFirstMeeting) {
  auto g = readCircuit(kThree, 3, 1);
  EXPECT_EQ(captured([&] { g->printGraph(); }),
            "Number of nodes = 3\nNumber of edges = 2\nu --> v    act\n"
            "0     1     2\n1     2     1\n");
}

TEST(Reports, InfoListsNodesInVertexOrder) {
  auto g = readCircuit(kThree, 3, 1);
  EXPECT_EQ(captured([&] { g->printInfo(); }),
            "-------- Graph info: ----------\nvertex --> degree --> act\n0 1 2\n1 2 3\n2 1 1\n");
}

TEST(Reports, NodeRankingHighestFirstInWidthTwo) {
  auto g = readCircuit(kThree, 3, 1);
  EXPECT_EQ(captured([&] { g->printNodeRanking(); }), "Node ranking: \n 1  0  2 \n");
}

TEST(Reports, NodeRankingWritesWideIndicesInFull) {
  std::string text = "qubit a\nqubit b\nqubit c\n.begin\nCNOT a b\nCNOT a c\n.end\n";
  auto g = readCircuit(text, 11, 10);
  const std::string out = captured([&] { g->printNodeRanking(); });
  EXPECT_NE(out.find(" 109 "), std::string::npos);
  EXPECT_NE(out.find(" 99 "), std::string::npos);
  EXPECT_EQ(out.substr(0, 18), "Node ranking: \n 0 ");
  EXPECT_EQ(out.back(), '\n');
  EXPECT_EQ(out[out.size() - 2], ' ');
}

}  // namespace
